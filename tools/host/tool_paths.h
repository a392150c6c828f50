// Where the substitute host's answers point by default, laid out like the player's own
// installation: the plug-in folder is the library's folder, and the host's INI file,
// "winamp.ini", sits in the folder above it (as C:\Winamp\winamp.ini above C:\Winamp\Plugins).
// Paths are full Windows paths; both separators are accepted.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kHostIniFileName[] = "winamp.ini";

// The folder part of a file path, without a trailing separator ("C:\a\b.dll" -> "C:\a";
// "C:\b.dll" -> "C:\"; a bare name -> "").
std::string FolderOf(std::string_view path);

// winamp.ini in the parent of the plug-in folder (in the folder itself when it has no parent).
std::string DefaultIniFile(std::string_view pluginFolder);
