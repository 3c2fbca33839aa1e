# Media identifiers and the import run: target_sources(vi_import PRIVATE ...)
target_sources(vi_import PRIVATE iButton.h iButton.cpp ImportRun.h ImportRun.cpp
  VantrelDatabases.h VantrelDatabases.cpp)
