// The maker's details, shown in the about window and used by the main window (the about button's
// caption) and the help text. Texts are UTF-8.
#pragma once

namespace maker {

inline constexpr char kWebAddress[] = "www.velmorante.example";
inline constexpr char kName[] = "Velmorante Instrumentos";
// The maker's name as the about window spells it out, with a space between letters.
inline constexpr char kSpacedName[] = "V E L M O R A N T E";
// The maker's line of loggers; completes the about window's "... loggers de la " line.
inline constexpr char kLoggerLine[] = "línea VELMORANTE TH12.";
inline constexpr char kRightsLine[] = "© 1998-2024 Velmorante Instrumentos";
inline constexpr char kEmail[] = "ventas@velmorante.example";
inline constexpr char kStreetAddress[] = "Calle del Faro 128, Montevela";
inline constexpr char kTelephone[] = "Tel. (555) 014-2387";

}  // namespace maker
