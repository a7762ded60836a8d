#pragma once

#include <QString>

// Where an installation keeps what belongs to the program: its data folder
// (share/), its helper programs (libexec/) and its private libraries lie at
// fixed places beside its programs' folder (bin/), as the install rules lay
// them out, wherever the tree is unpacked. Elsewhere (the build tree, a copy
// the user made) everything lies side by side. This is the one place that
// tells the two apart.
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

// The programs' folder that a process running from processFolder belongs to:
// the installation's bin for a helper in its libexec folder, else the folder
// itself.
QString programFolderOf(const QString& processFolder);

// A helper program that only the package's own programs start (the clipboard
// keeper, the insert helper): in the installation's libexec folder, beside
// the programs elsewhere.
QString helperProgram(const QString& programFolder, const QString& name);

// A library that only the package's programs load (the typing module): in
// the installation's private library folder, beside the programs elsewhere.
QString privateLibrary(const QString& programFolder, const QString& fileName);

} // namespace InstallLayout
