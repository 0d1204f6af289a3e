// Control identifiers of the options pages (dialogs 103, 112 and 113).
#pragma once

// General page
#define IDC_SENDER_NUMBER 1002
#define IDC_NUMBER_MSGS 1003
#define IDC_CUT 1004
#define IDC_SPLIT 1005
#define IDC_SPLIT_NUMBER 1006
#define IDC_GATEWAY_PATH 1007
#define IDC_ACTIVATE_ON_NA 1012
#define IDC_TRIGGER 1014
#define IDC_USER_MSG_INTERVAL 1015
#define IDC_ACTIVE 1016
#define IDC_DO_LOG 1017
#define IDC_LOGFILE 1018
#define IDC_VERBOSE 1019
#define IDC_SUCCESS_MSG 1020
#define IDC_FAILURE_MSG 1021
#define IDC_FLOOD_MSG 1022
#define IDC_RESCAN 1024
#define IDC_BROWSE 1028
#define IDC_USE_WAB 1037

// Gateway order page
#define IDC_GATEWAY_LIST 1038
#define IDC_UP 1039
#define IDC_DOWN 1040
#define IDC_LOAD 1041
#define IDC_SAVE 1042
#define IDC_ROTATE 1043

// Outbox page
#define IDC_QUEUE_FAILED 1044
#define IDC_RETRY_MINUTES 1045
#define IDC_MAX_TRIES 1046
#define IDC_QUEUED_MSG 1047
#define IDC_LOG_HISTORY 1048
#define IDC_OUTBOX_LIST 1049
#define IDC_RETRY_NOW 1050
#define IDC_DELETE_MESSAGE 1051
