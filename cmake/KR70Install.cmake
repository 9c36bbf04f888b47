# `cmake --install build --prefix PREFIX` lays the workstation out as
#   PREFIX/lib/kr70/            the programs, every shared library and LANG/
#   PREFIX/bin/<program>        symbolic links to the programs in lib/kr70/
#   PREFIX/share/applications, metainfo, mime/packages, icons/hicolor
# The programs find their language files and the libraries they load by name
# in the folder of the executable (/proc/self/exe, which resolves the link in
# bin/), and their linked libraries through the RPATH $ORIGIN, so the tree
# works wherever PREFIX is.
include(GNUInstallDirs)

set(KR70_APP_ID "com.ostrel.KR70")
set(KR70_INSTALL_PRIVATE_DIR "${CMAKE_INSTALL_LIBDIR}/kr70" CACHE STRING
    "Folder (relative to the prefix) of the programs, their libraries and LANG/")

# Every shared library built outside a tests folder is part of the workstation.
function(kr70_collect_shared_libraries directory result)
  set(found)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(source ${target} SOURCE_DIR)
    if(type STREQUAL "SHARED_LIBRARY" AND NOT source MATCHES "/tests(/|$)")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    kr70_collect_shared_libraries(${subdirectory} below)
    list(APPEND found ${below})
  endforeach()
  set(${result} ${found} PARENT_SCOPE)
endfunction()

kr70_collect_shared_libraries(${PROJECT_SOURCE_DIR} kr70_shared_libraries)
if(kr70_shared_libraries)
  install(TARGETS ${kr70_shared_libraries} LIBRARY DESTINATION ${KR70_INSTALL_PRIVATE_DIR})
endif()

file(RELATIVE_PATH kr70_bin_to_private
     /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${KR70_INSTALL_PRIVATE_DIR})
foreach(program KR70 kr70-analyse kr70-demo-gen kr70-results)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${KR70_INSTALL_PRIVATE_DIR})
    install(CODE "
      set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(REMOVE \"\${link}\")
      message(STATUS \"Installing: \${link} -> ${kr70_bin_to_private}/${program}\")
      file(CREATE_LINK \"${kr70_bin_to_private}/${program}\" \"\${link}\" SYMBOLIC)")
  endif()
endforeach()

if(TARGET LmLangFiles)
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/LANG/
          DESTINATION ${KR70_INSTALL_PRIVATE_DIR}/LANG
          FILES_MATCHING PATTERN "*.STR")
endif()

set(kr70_desktop_dir ${PROJECT_SOURCE_DIR}/data/desktop)
install(FILES ${kr70_desktop_dir}/${KR70_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${kr70_desktop_dir}/${KR70_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${kr70_desktop_dir}/${KR70_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${KR70_APP_ID}.xml)
install(FILES ${PROJECT_SOURCE_DIR}/app/ui/icons/kr70.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KR70_APP_ID}.svg)
install(FILES ${PROJECT_SOURCE_DIR}/app/ui/icons/rawdata.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-kr70-rawdata.svg)

# The suite installs the build into a scratch prefix and runs it from there.
find_program(KR70_DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(KR70_APPSTREAMCLI appstreamcli)
find_program(KR70_UPDATE_MIME_DATABASE update-mime-database)
if(BUILD_TESTING AND TARGET KR70 AND TARGET kr70-analyse AND TARGET kr70-demo-gen)
  if(KR70_DESKTOP_FILE_VALIDATE AND KR70_APPSTREAMCLI AND KR70_UPDATE_MIME_DATABASE)
    add_test(NAME kr70_install
             COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/tests/install_test.sh
                     ${CMAKE_BINARY_DIR})
    # Its workstation opens the simulated card and so the A/D temporary file.
    set_tests_properties(kr70_install PROPERTIES TIMEOUT 180 RESOURCE_LOCK kr70-ad-tempfile)
  else()
    message(WARNING "kr70_install test skipped: desktop-file-utils, appstream or shared-mime-info missing")
  endif()
endif()
