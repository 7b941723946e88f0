list(APPEND VARNOOK_PORTABLE_SOURCES
  platform/MemoryRegistry.cpp
  platform/PixelScaling.cpp
  platform/Services.cpp
  platform/CatalogFiles.cpp
  platform/TextEncoding.cpp
  platform/portable/IniText.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  platform/win32/TextWin32.cpp
  platform/win32/RegistryWin32.cpp
  platform/win32/NotifyWin32.cpp
  platform/win32/FileSystemWin32.cpp
  platform/win32/HostPathWin32.cpp
  platform/win32/EnvironmentWin32.cpp
  platform/win32/ProgramFilesWin32.cpp
  platform/win32/IniFilesWin32.cpp
  platform/win32/CatalogFilesWin32.cpp
  platform/win32/ShellLauncher.cpp
  platform/win32/CryptoWin32.cpp
  platform/win32/InternetWin32.cpp
  platform/win32/InstallerFileWin32.cpp
  platform/win32/AdminServicesWin32.cpp
  platform/win32/ClipboardWin32.cpp
  platform/win32/FolderWatchWin32.cpp
  platform/win32/IconPicture.cpp
)
list(APPEND VARNOOK_NATIVE_SOURCES
  platform/portable/TextPortable.cpp
  platform/portable/DefaultServices.cpp
  platform/portable/FileSystemPortable.cpp
  platform/portable/ProgramFilesPortable.cpp
  platform/portable/IniFilesPortable.cpp
  platform/portable/CatalogFilesPortable.cpp
  platform/portable/CryptoOpenSsl.cpp
  platform/portable/AdminServicesPortable.cpp
  platform/portable/FolderWatchPortable.cpp
)
