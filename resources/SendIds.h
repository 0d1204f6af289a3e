// Control identifiers of the send dialog (dialog 101). The send job's view
// and the address book, which writes prefix and number into its owner,
// rely on them.
#pragma once

#define IDC_SMS_SEND 1000
#define IDC_SMS_PREFIX 1001
#define IDC_SMS_MESSAGE 1002
#define IDC_SMS_NUMBER 1003
#define IDC_SMS_PROGRESS 1009
#define IDC_SMS_STATUS 1010
#define IDC_SMS_COUNTER 1011
#define IDC_SMS_ADDRESSBOOK 1031
