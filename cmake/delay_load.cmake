# Delay-loaded imports. A DLL a program imports is loaded before the program's entry runs, from
# the first place Windows looks, which is the program's own folder, unless it is one of the
# KnownDLLs (always taken from System32) or comes through the manifest (common controls 6).
# Delay-loaded, it loads at the first call of one of its functions, after the entry has restricted
# the DLL search to System32 (base/dll_search_win32.h).
#
# A delay-loaded DLL that cannot be loaded raises an exception at that first call. The DLLs here
# are system DLLs that every supported Windows has, so the programs install no handler for it.
#
# zentrim_delay_load(target dll...) delay-loads the DLLs named by their base names (version,
# winhttp, ...). MSVC: /DELAYLOAD with delayimp.lib. MinGW, whose linker has no such option: a
# delay-import library made by dlltool for each DLL, from a .def file of the functions we call,
# in a folder of its own that the target's linker searches before the system's, so that its
# "-lversion" takes it instead of the ordinary import library.

# The functions we call, with their stdcall argument bytes (@N) for i686. A call to one that is
# missing here fails the link of the programs with an undefined "__imp_" reference: add it.
set(zentrim_delay_load_version GetFileVersionInfoSizeW@8 GetFileVersionInfoW@16 VerQueryValueW@16)
set(zentrim_delay_load_winhttp
    WinHttpCloseHandle@4 WinHttpConnect@16 WinHttpOpen@20 WinHttpOpenRequest@28 WinHttpQueryDataAvailable@8
    WinHttpQueryHeaders@24 WinHttpReadData@16 WinHttpReceiveResponse@8 WinHttpSendRequest@28 WinHttpSetOption@16
    WinHttpSetTimeouts@20)
set(zentrim_delay_load_winmm PlaySoundW@12)
set(zentrim_delay_load_bcrypt
    BCryptCloseAlgorithmProvider@8 BCryptCreateHash@28 BCryptDestroyHash@4 BCryptDestroyKey@4 BCryptFinishHash@16
    BCryptGenRandom@16 BCryptHashData@16 BCryptImportKeyPair@28 BCryptOpenAlgorithmProvider@16
    BCryptVerifySignature@28)
set(zentrim_delay_load_ole32 CoCreateInstance@20 CoInitializeEx@8 CoUninitialize@0)
set(zentrim_delay_load_oleaut32 SysAllocStringLen@8 VariantInit@4)
set(zentrim_delay_load_shell32 CommandLineToArgvW@8 ShellExecuteW@24)
set(zentrim_delay_load_dlls version winhttp winmm bcrypt ole32 oleaut32 shell32)

if(MINGW)
    if(NOT CMAKE_DLLTOOL)
        message(FATAL_ERROR "dlltool of the MinGW-w64 binutils not found: it makes the delay-import libraries")
    endif()
    set(ZENTRIM_DELAY_LOAD_DIR ${CMAKE_BINARY_DIR}/delay-load)
    set(delay_libraries)
    foreach(dll ${zentrim_delay_load_dlls})
        set(exports ${zentrim_delay_load_${dll}})
        set(kill_at)
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            # The symbols carry @N; the names the DLL exports do not.
            set(kill_at -k)
        else()
            list(TRANSFORM exports REPLACE "@[0-9]+$" "")
        endif()
        list(JOIN exports "\n    " exports)
        set(folder ${ZENTRIM_DELAY_LOAD_DIR}/${dll})
        file(CONFIGURE OUTPUT ${folder}/${dll}.def CONTENT "LIBRARY ${dll}.dll\nEXPORTS\n    ${exports}\n")
        add_custom_command(OUTPUT ${folder}/lib${dll}.a
            COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${dll}.def --dllname ${dll}.dll
                    --output-delaylib lib${dll}.a
            WORKING_DIRECTORY ${folder}
            DEPENDS ${folder}/${dll}.def
            COMMENT "Making the delay-import library of ${dll}.dll")
        list(APPEND delay_libraries ${folder}/lib${dll}.a)
    endforeach()
    add_custom_target(zentrim_delay_load_libraries DEPENDS ${delay_libraries})
endif()

function(zentrim_delay_load target)
    foreach(dll ${ARGN})
        if(NOT dll IN_LIST zentrim_delay_load_dlls)
            message(FATAL_ERROR "zentrim_delay_load: no functions listed for ${dll} in cmake/delay_load.cmake")
        endif()
        if(MSVC)
            target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
        elseif(MINGW)
            target_link_directories(${target} BEFORE PRIVATE ${ZENTRIM_DELAY_LOAD_DIR}/${dll})
            set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ZENTRIM_DELAY_LOAD_DIR}/${dll}/lib${dll}.a)
        endif()
    endforeach()
    if(MSVC)
        target_link_libraries(${target} PRIVATE delayimp)
    elseif(MINGW)
        add_dependencies(${target} zentrim_delay_load_libraries)
    endif()
endfunction()
