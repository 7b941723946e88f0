list(APPEND VARNOOK_PORTABLE_SOURCES
  app/Actions.cpp
  app/PanelLayout.cpp
  app/Options.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  app/MessageBoxWindow.cpp
  app/FormOK.cpp
  app/FormYesNo.cpp
  app/FormYesNoCancel.cpp
)
