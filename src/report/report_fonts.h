#pragma once
// The report's typeface, DejaVu Sans as Debian ships it (fonts-dejavu-core), loaded from its
// files so that every report embeds the same font whatever the system would pick.
#include <QString>
#include <optional>

namespace ReportFonts {

inline constexpr char RegularPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr char BoldPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The family, loaded once; nullopt with a message for the user when a file is missing or
// cannot be read. Needs a QGuiApplication.
std::optional<QString> Family(QString* error);

}  // namespace ReportFonts
