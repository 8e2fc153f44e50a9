# Installation and the Debian package.
#
# The program reads its database from the folder it runs from, so the two programs are installed
# together at the top of the install prefix, with no bin/ below it:
#   cmake --install build --component programs --prefix ~/Pemvix   (what run.sh does: a shop folder)
#   cpack --config build/CPackConfig.cmake                          (the Debian package)
# The package keeps the programs in /opt/pemvix and adds the launcher /usr/bin/pemvix, which gives
# each shop a folder of its own (~/Pemvix) with a copy of the programs and the database; a menu
# entry and an icon start it.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX /opt/pemvix CACHE PATH "Install prefix" FORCE)
endif()

install(TARGETS pemvix pemvix-initdb RUNTIME DESTINATION . COMPONENT programs)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/pemvix-launch DESTINATION /usr/bin RENAME pemvix COMPONENT desktop)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pemvix.desktop DESTINATION /usr/share/applications COMPONENT desktop)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/pemvix.svg DESTINATION /usr/share/icons/hicolor/scalable/apps
    COMPONENT desktop)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pemvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sales and inventory for a small shop")
set(CPACK_PACKAGE_DESCRIPTION "Pemvix rings up sales at the till (with a barcode scanner or the keyboard), \
registers items and employees, keeps and watches stock, and prints sales reports. All of a shop's data \
lives in one encrypted SQLCipher file in the shop's own folder (~/Pemvix).")
set(CPACK_PACKAGE_VENDOR "Pemvix")
set(CPACK_PACKAGE_CONTACT "Pemvix maintainers <pemvix@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/pemvix)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The launcher: coreutils and util-linux are essential; xauth, the VNC server and openbox serve
# computers without a display; xmessage shows the first sign-in when started from the menu.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xauth")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils, tigervnc-standalone-server, tigervnc-tools, openbox")
set(CPACK_COMPONENTS_ALL programs desktop)
include(CPack)
