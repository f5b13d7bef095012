# Include rules checked at configure time, before anything compiles: a stray include is refused
# with the file's name, not found in a review.

# Fails the configuration when a source of the folders after `advice` includes a header that
# `header` matches (a regular expression of the include's name with its bracket or quote).
# platform/toolkit counts without the backends below it.
function(tarnix_refuse_includes header what advice)
  foreach(folder IN LISTS ARGN)
    if(folder STREQUAL "platform/toolkit")
      file(GLOB sources "${PROJECT_SOURCE_DIR}/${folder}/*.h"
                        "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    else()
      file(GLOB_RECURSE sources "${PROJECT_SOURCE_DIR}/${folder}/*.h"
                                "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    endif()
    foreach(source IN LISTS sources)
      file(STRINGS "${source}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*${header}")
      if(hits)
        message(FATAL_ERROR "${source} includes ${what} (${hits}); ${advice}")
      endif()
    endforeach()
  endforeach()
endfunction()

# The logic folders stay free of the window library and of the database: only the Qt backend and
# the store may see them. Their targets do not link either library either.
tarnix_refuse_includes("[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/.*|sqlite3\\.h|libpq-fe\\.h)[>\"]"
  "a window-library or database header"
  "only platform/toolkit/qt, platform/messaging and platform/history may."
  app chooser history monitor generator platform/toolkit platform/toolkit/headless
  platform/runtime)

# The store's own headers (platform/messaging/store/) are private to the messaging library: every
# other folder, tests and tools included, works through its public headers. The headers refuse to
# compile outside the library too; this names the file first.
tarnix_refuse_includes("\"platform/messaging/store/" "a header private to the messaging library"
  "use platform/messaging's public headers."
  app chooser monitor generator platform/toolkit platform/runtime tools tests bench fuzz)

# Inside the store, each backend keeps to its folder: store/sqlite/ and store/postgres/ never see
# each other, and what both use beside them in store/ sees neither. Only the factory, which
# chooses the backend a name resolves to, sits above both.
function(tarnix_forbid_store_includes pattern allowed)
  file(GLOB sources ${pattern})
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits
         REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/messaging/store/(sqlite|postgres)/")
    foreach(hit IN LISTS hits)
      if(NOT hit MATCHES "store/${allowed}/")
        message(FATAL_ERROR "${source} includes another backend's header (${hit}); only "
                            "platform/messaging/store/backend_factory.cpp sees both backends.")
      endif()
    endforeach()
  endforeach()
endfunction()
set(store_folder "${PROJECT_SOURCE_DIR}/platform/messaging/store")
file(GLOB store_shared "${store_folder}/*.h" "${store_folder}/*.cpp")
list(REMOVE_ITEM store_shared "${store_folder}/backend_factory.cpp")
foreach(source IN LISTS store_shared)
  tarnix_forbid_store_includes("${source}" "none")
endforeach()
tarnix_forbid_store_includes("${store_folder}/sqlite/*" "sqlite")
tarnix_forbid_store_includes("${store_folder}/postgres/*" "postgres")
