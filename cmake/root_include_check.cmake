# The file-system root among a target's include directories would let any header on the machine
# compile, and with it a packer source that includes Hexfold's headers or the other way round.
# framestow_refuse_root_include_directories() walks every target of the build, in every folder,
# and fails the configuration when one has "/" (in any spelling, "//" or "/usr/.." alike) among
# its INCLUDE_DIRECTORIES or INTERFACE_INCLUDE_DIRECTORIES. Call it once every target exists.

# True in `result` when `entry` names the root; $<BUILD_INTERFACE:...> and similar wrappers are
# looked through.
function(_framestow_names_root entry result)
  string(REGEX REPLACE "^\\$<[A-Za-z_]+:(.*)>$" "\\1" path "${entry}")
  set(${result} FALSE PARENT_SCOPE)
  if(path MATCHES "^/")
    cmake_path(SET normal NORMALIZE "${path}")
    if(normal MATCHES "^/+$")
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

function(framestow_refuse_root_include_directories)
  set(folders "${CMAKE_SOURCE_DIR}")
  set(offenders "")
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY "${folder}" PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY "${folder}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      foreach(property INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES)
        get_property(entries TARGET ${target} PROPERTY ${property})
        foreach(entry IN LISTS entries)
          _framestow_names_root("${entry}" is_root)
          if(is_root)
            string(APPEND offenders "\n  ${target} ${property}: ${entry}")
          endif()
        endforeach()
      endforeach()
    endforeach()
  endwhile()
  if(offenders)
    message(FATAL_ERROR "The file-system root is among the include directories of:${offenders}")
  endif()
endfunction()
