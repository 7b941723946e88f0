list(APPEND VARNOOK_PORTABLE_SOURCES
  core/Strings.cpp
  core/Tools.cpp
  core/Expansion.cpp
  core/Registry.cpp
  core/Exclusions.cpp
  core/NodeInfo.cpp
  core/ETree.cpp
  core/Translate.cpp
  core/MoFile.cpp
  core/FileLocator.cpp
  core/ETreeStore.cpp
  core/ETreeExpand.cpp
  core/ETreeVerify.cpp
  core/PathProbeCache.cpp
  core/ETreeFind.cpp
  core/Presentation.cpp
)
