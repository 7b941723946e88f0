list(APPEND VARNOOK_PORTABLE_SOURCES
  edit/UndoStack.cpp
  edit/EditOperations.cpp
  edit/PathInsertion.cpp
  edit/DropRules.cpp
  edit/ClipboardRecord.cpp
  edit/ContentAssist.cpp
  edit/InPlaceEdit.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  edit/DragDrop.cpp
  edit/ContentAssistPopup.cpp
  edit/InPlaceEditor.cpp
)
