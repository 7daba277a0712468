// The names and control ids of the send progress window's resources, shared
// by the resource script and the code. Only preprocessor lines: the resource
// compiler reads this file too.
#pragma once

#define EL_SERVER_NAME "EL_SERVER"
#define IDC_SEND_STATUS 100
#define IDC_SEND_PROGRESS 101

// The picture painted at the window's left.
#define EL_SEND_NAME "EL_Send"
