// SPDX-License-Identifier: MIT
// The application shell's fixed user-visible texts (a CR, code 13, starts a line).
#pragma once

namespace tastomat::texts {

inline constexpr const char* boardProblemTitle = "AVR-NET-IO: Problem";

inline constexpr const char* loginTitle = "AVR-NET-IO: Passwortabfrage";
inline constexpr const char* loginButton = "Anmelden";
inline constexpr const char* cancelButton = "Abbrechen";
inline constexpr const char* wrongPassword =
    "Es wurde ein falsches Passwort eingegeben!   \r\r Ein Neustart des Programms ist "
    "erforderlich!";

inline constexpr const char* networkFailed = "Das Netzwerk kann nicht initialisiert werden!";
inline constexpr const char* boardNotFound = "Das AVR-NET-IO-Board kann nicht gefunden werden!";
inline constexpr const char* mainWindowFailed = "Das Programmfenster kann nicht geöffnet werden!";

inline constexpr const char* connectingIntro = "Verbindungsaufbau zum AVR-NET-IO-Board...";
inline constexpr const char* connectingAddress = "IP/DNS: ";
inline constexpr const char* connectingPort = "Port: ";

}  // namespace tastomat::texts
