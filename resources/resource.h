// Resource identifiers of the plug-in's dialogs and icons.
#pragma once

#define IDD_SEND 101
#define IDI_NOTICE 102
#define IDD_OPT_GENERAL 103
#define IDI_MENU 106
#define IDI_FOLDER 108
#define IDD_ADDRESSBOOK 109
#define IDI_ADDRESSBOOK 110
#define IDD_PHONE_EDITOR 111
#define IDD_OPT_ORDER 112
#define IDD_OPT_OUTBOX 113
#define IDD_OPT_CREDIT 114

