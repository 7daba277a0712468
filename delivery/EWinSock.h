// The sockets library as the mail road uses it: every function is looked up
// by name at each call, from the first of "ws2_32.dll", "wsock32.dll" and
// "mswsock.dll" that loaded, so the module needs none of them to load.
//
// The start flag is process-wide. The engine starts and ends the library in
// its guarded unit steps "ESockets.Init" and "ESockets.Done"; a socket's
// Connect starts it too when nobody has.
#pragma once

#include <string>

// Any function pointer: the look-up's result before the caller gives it its
// type (a cast from this one is a plain function pointer conversion).
using TWinSockProcedure = void (*)();

// The sockets function `name`. The three libraries are loaded at the first
// look-up, each once per process. Raises EDovaroFuncNotFoundError
// ("WinSock's function \"<name>\" can not be found") when none loaded, and
// with the same text when the chosen library lacks the function.
TWinSockProcedure WinSockProcedure(const char* name);

template <class TFunction>
TFunction WinSockFunction(const char* name) {
  return reinterpret_cast<TFunction>(WinSockProcedure(name));
}

// Starts the library, version 1.1, unless it is started; raises
// EDovaroWinSockError when the library refuses.
void StartSockets();
// Ends the library when it was started; raises EDovaroWinSockError when the
// library refuses.
void EndSockets();
bool SocketsStarted();

// The system's text for a sockets error code ("error 10061" when the system
// has none).
std::string WinSockErrorText(int code);
// The text for the library's last error of this thread.
std::string LastWinSockErrorText();

// The computer's name as "gethostname" gives it, at most 250 characters.
std::string LocalHostName();
