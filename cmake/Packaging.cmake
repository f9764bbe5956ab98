# The Debian package, made by `cpack -G DEB` in a configured build
# (scripts/package). Its files are the install rules of the tree, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnhold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Zorva)
set(CPACK_PACKAGE_CONTACT "Zorva <support@zorva.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Windows Live Mail backup and restore for Wine")
set(CPACK_PACKAGE_DESCRIPTION
  "Zorva Windows Live Mail Backup saves everything a Windows Live Mail user has
(accounts and messages, rules, junk-mail settings, contacts, the message
database, signatures, stationery, settings and calendars) into one .wlm file,
optionally password-protected, and puts it back. It works on a Windows Live
Mail installed in a Wine prefix, and can run scheduled backups from cron and
write backups to CD, DVD or BD. tarnhold-cli inspects, verifies and restores
backups from a shell.")
set(CPACK_STRIP_FILES ON)
# Directories as Debian expects them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zorva <support@zorva.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The product's web address, as the about window shows it.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/config/Globals.h website REGEX "kProductWebsite = ")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" CPACK_DEBIAN_PACKAGE_HOMEPAGE "${website}")
# dpkg-shlibdeps names the packages of the libraries the executables link
# (Qt 6, libzip, libburn, libisofs, libdeflate, OpenSSL, zlib) as this Debian
# release calls them, with the versions the build needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The mail client runs in Wine; scheduled backups are crontab entries.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, cron")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
