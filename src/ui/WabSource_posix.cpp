#include "ui/WabSource.h"

namespace wab {

// There is no Windows Address Book here: its rows are simply absent.
std::unique_ptr<Source> OpenAddressBook() { return nullptr; }

}  // namespace wab
