# The build-time origins (LORVEX_PORTAL_ORIGIN, LORVEX_FORUM_ORIGIN) must be a scheme and a
# host: http(s)://host[:port], a trailing slash allowed, nothing after it. The client
# compares addresses with the portal origin, so a path or a user name would never match.
# Run as a script (cmake -DORIGIN=... -P PortalOrigin.cmake) it checks one value, for tests.

function(lorvex_check_origin name value)
    set(host "([^]/?#@:[ \t]+|\\[[0-9A-Fa-f:.]+\\])")
    set(valid FALSE)
    if(value MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://${host}(:([0-9]+))?/?$")
        if("${CMAKE_MATCH_3}" STREQUAL "" OR CMAKE_MATCH_3 LESS_EQUAL 65535)
            set(valid TRUE)
        endif()
    endif()
    if(NOT valid)
        message(FATAL_ERROR
            "${name} is \"${value}\", which is not an origin of the form "
            "http(s)://host[:port] (no path, query, fragment or user name).\n"
            "For example: -D${name}=http://portal.example or "
            "-D${name}=https://portal.example:8443")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    lorvex_check_origin(ORIGIN "${ORIGIN}")
endif()
