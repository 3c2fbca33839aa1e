target_sources(vi_platform PRIVATE Trace.h Trace_${VI_PLATFORM}.cpp)
