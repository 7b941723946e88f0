list(APPEND VARNOOK_PORTABLE_SOURCES
  cli/CommandLine.cpp
)
list(APPEND VARNOOK_WIN32_SOURCES
  cli/RunCommandLine.cpp
  cli/FormCmdHelp.cpp
)
