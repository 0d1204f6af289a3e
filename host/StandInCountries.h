// The country list behind "Utils/GetCountryList".
#pragma once

#include "shell/HostRecords.h"

namespace standin {
namespace countries {
extern const host::CountryListEntry kList[];
extern const int kCount;
}  // namespace countries
}  // namespace standin
