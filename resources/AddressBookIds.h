// Control identifiers of the address book (dialog 109) and the phone number
// editor (dialog 111).
#pragma once

#define IDC_AB_LIST 1306
#define IDC_AB_ADD 1032
#define IDC_AB_EDIT 1033
#define IDC_AB_REMOVE 1034

#define IDC_PE_FIRSTNAME 1002
#define IDC_PE_LASTNAME 1036
#define IDC_PE_COUNTRY 1063
#define IDC_PE_AREA 1312
#define IDC_PE_NUMBER 1003
#define IDC_PE_FULL 1065
