// The installer's messages to the user: Italian, Windows-1252 bytes ("\xF2"
// is the o with grave accent). The two "non trovato" texts differ on purpose
// in one word ("si" after the first exchange, "sia" after the second).
#pragma once

namespace installer_messages {

inline constexpr const char* kServerNotFoundFirst =
    "Server Brisole non trovato. Assicurarsi che Brisole si aperto sul server.";
inline constexpr const char* kServerNotFoundSecond =
    "Server Brisole non trovato. Assicurarsi che Brisole sia aperto sul server.";
inline constexpr const char* kCannotContactServer = "Impossibile contattare il server: ";
inline constexpr const char* kShareRequestFailed =
    "Impossibile concludere la richiesta di condivisione della cartella di Brisole: ";
inline constexpr const char* kShareRefused =
    "Il server non pu\xF2 condividere la cartella di Brisole; motivo:\r\n";
inline constexpr const char* kCannotAddAlias = "Impossibile aggiungere l'alias\r\n";

}  // namespace installer_messages
