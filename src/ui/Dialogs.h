// The address book and the phone number editor, as the rest of the plug-in
// opens them. Both are modal; `owner` is the owning window.
#pragma once

#include "ui/PhoneEditor.h"

namespace ui {

// Lists, adds, edits and removes phone numbers; OK writes the chosen
// prefix and number into the owner's prefix box (1001) and number box (1003).
void OpenAddressBook(void* owner);

// 1 when the user confirmed (the record holds the new texts), 2 when not.
int OpenPhoneEditor(void* owner, phone_editor::EditRecord& record);

}  // namespace ui
