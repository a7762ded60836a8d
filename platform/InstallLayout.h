#pragma once

#include <QString>

// Where an installation keeps what belongs to the program: its data folder
// (share/) lies at a fixed place beside its programs' folder (bin/), as the
// install rules lay it out, wherever the tree is unpacked.
namespace InstallLayout {

// The desktop's id of the catalogue program: its desktop entry, metainfo,
// icon and the id a Wayland compositor matches windows by.
inline constexpr char DesktopApplicationId[] = "example.orvak.ZunoSmiley";

// The data folder of the installation whose programs are in programFolder.
QString dataFolder(const QString& programFolder);

// Whether programFolder is the programs' folder of an installation of the
// catalogue (its data folder holds the program's desktop entry), as opposed
// to a build tree or a folder the user copied the program into.
bool isInstalled(const QString& programFolder);

} // namespace InstallLayout
