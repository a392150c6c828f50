# speexdsp's resampler, built from Debian's source package (scripts/fetch-speexdsp.sh fetches
# and unpacks it once under build/third_party, shared by every tree) into a static library
# that the plug-in and the native trees link. Only resample.c is used. Its symbols carry a
# prefix of their own (OUTSIDE_SPEEX, RANDOM_PREFIX), so they never clash with a speexdsp
# that the host process may have loaded.
set(TIDEWELL_THIRD_PARTY ${CMAKE_SOURCE_DIR}/build/third_party)
execute_process(
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fetch-speexdsp.sh ${TIDEWELL_THIRD_PARTY}
  OUTPUT_VARIABLE speexdsp_dir OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_VARIABLE speexdsp_error
  RESULT_VARIABLE speexdsp_result)
if(NOT speexdsp_result EQUAL 0)
  message(FATAL_ERROR "speexdsp's source is needed for the resampler and could not be had:\n"
                      "${speexdsp_error}\nRun scripts/bootstrap.sh (it adds the deb-src entry).")
endif()

add_library(speex_resampler STATIC ${speexdsp_dir}/libspeexdsp/resample.c)
target_compile_definitions(speex_resampler
  PUBLIC OUTSIDE_SPEEX RANDOM_PREFIX=tidewell_speex
  PRIVATE FLOATING_POINT USE_SSE EXPORT=)
target_include_directories(speex_resampler SYSTEM
  PUBLIC ${speexdsp_dir}/include/speex
  PRIVATE ${speexdsp_dir}/libspeexdsp)
# Foreign code: its own warnings are not ours to fix.
target_compile_options(speex_resampler PRIVATE -w)
set_target_properties(speex_resampler PROPERTIES POSITION_INDEPENDENT_CODE ON)
