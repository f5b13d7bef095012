# The logic folders must stay free of the window library and of the database: only the Qt backend
# and the store may see them. Their targets do not link either library, and this check refuses a
# stray include at configure time, before anything compiles.
function(tarnix_forbid_includes folder)
  file(GLOB_RECURSE sources "${PROJECT_SOURCE_DIR}/${folder}/*.h" "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
  if(folder STREQUAL "platform/toolkit")
    # The toolkit surface itself, but not its Qt backend below it.
    file(GLOB sources "${PROJECT_SOURCE_DIR}/${folder}/*.h" "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
  endif()
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/.*|sqlite3\\.h|libpq-fe\\.h)[>\"]")
    if(hits)
      message(FATAL_ERROR "${source} includes a window-library or database header (${hits}); "
                          "only platform/toolkit/qt and platform/messaging may.")
    endif()
  endforeach()
endfunction()

foreach(folder app chooser monitor generator platform/toolkit platform/toolkit/headless
               platform/runtime)
  tarnix_forbid_includes(${folder})
endforeach()

# The store's own headers (platform/messaging/store/) are private to the messaging library: every
# other folder, tests and tools included, works through its public headers. The headers refuse to
# compile outside the library too; this check names the file before anything compiles.
foreach(folder app chooser monitor generator platform/toolkit platform/runtime tools tests bench
               fuzz)
  file(GLOB_RECURSE sources "${PROJECT_SOURCE_DIR}/${folder}/*.h"
                            "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/messaging/store/")
    if(hits)
      message(FATAL_ERROR "${source} includes a header private to the messaging library (${hits}); "
                          "use platform/messaging's public headers.")
    endif()
  endforeach()
endforeach()

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
