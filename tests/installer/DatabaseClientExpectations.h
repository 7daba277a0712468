// What SetBDEConfig leaves behind, as the tests of its engine calls and of
// where it finds the engine expect it.
#pragma once

// The keys it writes, the first under HKEY_CURRENT_USER, the second under
// HKEY_LOCAL_MACHINE.
inline constexpr char kClientKey[] = "Software\\Vesk\\Brisole\\Settings";
inline constexpr char kEngineKey[] = "Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT";

// The message when the alias for the server srv1 cannot be added.
inline constexpr char kFailureSrv1[] =
    "Impossibile aggiungere l'alias\r\nSERVER NAME=srv1\r\nBLOB SIZE=65535\r\nBLOBS TO "
    "CACHE=65535\r\nSQLDIALECT=1\r\n";
