list(APPEND VARNOOK_PORTABLE_SOURCES
  app/Actions.cpp
  app/PanelLayout.cpp
  app/Options.cpp
  app/Inspector.cpp
  app/FormAddVarRules.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  app/Window.cpp
  app/UnhandledFailure.cpp
  app/OneInst.cpp
  app/Version.cpp
  app/PanelCaption.cpp
  app/InfoPanel.cpp
  app/TreeView.cpp
  app/MainWindow.cpp
  app/MainWindowLayout.cpp
  app/MainWindowCommands.cpp
  app/MainWindowEdit.cpp
  app/TreeDragDrop.cpp
  app/FormAddVar.cpp
  app/MainWindowStore.cpp
  app/MainWindowInspector.cpp
  app/MessageBoxWindow.cpp
  app/FormOK.cpp
  app/FormYesNo.cpp
  app/FormYesNoCancel.cpp
)
list(APPEND VARNOOK_PORTABLE_SOURCES
  app/OptionsDialogModel.cpp
  app/CreditsMarkup.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  app/DialogSupport.cpp
  app/FormExclusionVar.cpp
  app/FormOptions.cpp
  app/Credits.cpp
  app/FormAbout.cpp
)
