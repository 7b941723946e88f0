list(APPEND VARNOOK_PORTABLE_SOURCES
  app/Actions.cpp
  app/PanelLayout.cpp
)
