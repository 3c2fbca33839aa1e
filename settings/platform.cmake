# File attributes and code page (Qt-free): one unit per platform.
target_sources(vi_platform PRIVATE FilePlatform.h FilePlatform_${VI_PLATFORM}.cpp)
