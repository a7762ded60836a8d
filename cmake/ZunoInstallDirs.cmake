# Where an installation puts things, for every folder that installs some.
#
# The libraries go to a private folder of their own below the multiarch
# library folder (whatever the prefix), found by the programs through a
# RUNPATH relative to $ORIGIN, so the installed tree works wherever it is
# unpacked.
include(GNUInstallDirs)

# The Debian package and its folders carry the lower-case name.
set(ZUNO_PACKAGE_NAME zunosmiley)
set(ZUNO_APP_ID example.orvak.ZunoSmiley)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(arch_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(arch_libdir ${CMAKE_INSTALL_LIBDIR})
endif()
set(ZUNO_INSTALL_PRIVATE_LIBDIR ${arch_libdir}/${ZUNO_PACKAGE_NAME} CACHE PATH
    "The libraries' private folder, relative to the prefix")
set(ZUNO_INSTALL_CMAKEDIR ${arch_libdir}/cmake/ZunoSmileys CACHE PATH
    "The CMake package of the libraries, relative to the prefix")
set(ZUNO_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/${ZUNO_PACKAGE_NAME})
# Helper programs that only the package's own programs start.
set(ZUNO_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/${ZUNO_PACKAGE_NAME})
set(ZUNO_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ZUNO_PACKAGE_NAME})
# The fixed sizes of the hicolor theme that get PNG icons beside the SVG.
set(ZUNO_ICON_SIZES 16 22 24 32 48 64 128 256)
