list(APPEND VARNOOK_PORTABLE_SOURCES
  edit/UndoStack.cpp
)
