// The names and control ids of the dialogs' resources, shared by the
// resource script and the code. Only preprocessor lines: the resource
// compiler reads this file too.
#pragma once

// The classic exception dialog.
#define EL_MS_DIALOG_NAME "EL_MS_DIALOG"
#define IDC_CLASSIC_HEADER 102
#define IDC_CLASSIC_MESSAGE 103
#define IDC_CLASSIC_TERMINATE 104
#define IDC_CLASSIC_TELL 105
#define IDC_CLASSIC_REPORT 106
#define IDC_CLASSIC_DETAILS 107
#define IDC_CLASSIC_QUESTION 108
#define IDC_CLASSIC_REPRODUCE 109
#define IDC_CLASSIC_EMAIL_LABEL 110
#define IDC_CLASSIC_EMAIL 111
#define IDC_CLASSIC_SEND 1000
#define IDC_CLASSIC_DONT_SEND 1001
#define IDC_CLASSIC_HELP 1002

// The steps-to-reproduce request.
#define EL_REQUEST_NAME "EL_REQUEST"
#define IDC_REQUEST_LABEL 100
#define IDC_REQUEST_EDIT 101
#define IDC_REQUEST_OK 2

// The picture of the classic dialog's header.
#define EL_ERROR_NAME "EL_ERROR"
