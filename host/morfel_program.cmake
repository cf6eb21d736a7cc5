# The morfel host program (target morfel_host, file "morfel"), put beside the
# plug-in library in bin/ so that each finds the other.
file(GLOB morfel_starter_inputs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/starter/*)
list(SORT morfel_starter_inputs)
set(morfel_starter_source ${CMAKE_CURRENT_BINARY_DIR}/starter_files.cpp)
add_custom_command(
  OUTPUT ${morfel_starter_source}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${morfel_starter_source}
          -DINPUT_DIR=${CMAKE_CURRENT_SOURCE_DIR}/starter
          -P ${CMAKE_CURRENT_SOURCE_DIR}/embed_files.cmake
  DEPENDS ${morfel_starter_inputs} ${CMAKE_CURRENT_SOURCE_DIR}/embed_files.cmake
  COMMENT "Embedding the starter library"
  VERBATIM)

# The host's files, a library of their own that knows no window, so that
# every program of the host's kind (morfel, the studio) shares them: the base
# folder seeded with the starter library, the image files and their codecs,
# whole-file writes and the cleanup on an interrupt.
set(morfel_host_file_sources host_files.cpp image_files.cpp picture_rows.cpp codec_stb.cpp
                             codec_bmp.cpp input_file.cpp output_file.cpp interrupts.cpp
                             format_limits.cpp run_folders.cpp)
# Codec libraries from Debian's packages; the Windows build reads and writes
# through stb alone.
if(NOT WIN32)
  list(APPEND morfel_host_file_sources codec_png.cpp png_encoder.cpp png_filters.cpp codec_jpeg.cpp
       codec_webp.cpp codec_tiff.cpp codec_gif.cpp)
endif()
list(TRANSFORM morfel_host_file_sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
add_library(morfel_host_files STATIC ${morfel_host_file_sources} ${morfel_starter_source})
target_link_libraries(morfel_host_files PUBLIC morfel_options morfel_library morfel_core)
if(WIN32)
  target_include_directories(morfel_host_files SYSTEM PUBLIC /usr/include/stb)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CODECS REQUIRED IMPORTED_TARGET stb spng zlib libjpeg libwebp libtiff-4 libgif)
  find_package(Threads REQUIRED)
  target_link_libraries(morfel_host_files PUBLIC PkgConfig::CODECS Threads::Threads)
endif()

# Everything but main() is a library, so the tests can reach it.
set(morfel_host_sources
    command_support.cpp options.cpp library_commands.cpp plugin_commands.cpp plugin_loader.cpp
    host_window.cpp row_exchange.cpp dialog_session.cpp apply_command.cpp parameters.cpp
    program_file.cpp usage.cpp functions_command.cpp standard_output.cpp program_notes.cpp
    edit_commands.cpp suggestions.cpp completion_script.cpp progress_bar.cpp session_apply.cpp
    session_check.cpp trace_command.cpp)
list(TRANSFORM morfel_host_sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
add_library(morfel_host_lib STATIC ${morfel_host_sources})
target_link_libraries(morfel_host_lib PUBLIC morfel_options morfel_host_files morfel_scripted_user
                                             morfel_session morfel_transform morfel_library
                                             morfel_script morfel_image morfel_core)
if(WIN32)
  target_link_libraries(morfel_host_lib PUBLIC comctl32 comdlg32 gdi32)
else()
  target_link_libraries(morfel_host_lib PUBLIC morfel_win32 ${CMAKE_DL_LIBS})
endif()
if(NOT WIN32)
  # Where an installed morfel finds the plug-in, relative to its own folder.
  include(GNUInstallDirs)
  file(RELATIVE_PATH morfel_plugin_dir_from_program ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_FULL_LIBDIR}/morfel)
  target_compile_definitions(morfel_host_files
                             PRIVATE MORFEL_PLUGIN_DIR_FROM_PROGRAM="${morfel_plugin_dir_from_program}")
endif()
add_executable(morfel_host ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(morfel_host PRIVATE morfel_host_lib)
set_target_properties(morfel_host PROPERTIES OUTPUT_NAME morfel
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
if(TARGET morfel)
  set_target_properties(morfel PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
                                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(morfel_host morfel)
endif()

if(NOT WIN32)
  # The platform layer is a shared library of ours, installed beside the
  # plug-in; a path relative to the program finds it wherever the tree moves.
  set_target_properties(morfel_host PROPERTIES INSTALL_RPATH "$ORIGIN/${morfel_plugin_dir_from_program}")
  install(TARGETS morfel_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/docs/morfel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/morfel-completion.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME morfel)
endif()
