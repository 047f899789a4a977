# Reads the version block and manifest values from resources/version_info.h, the one source
# of them: rlq_read_version_info(<header>) sets RLQ_VI_<name> for each string constant (k
# dropped: RLQ_VI_Comments, RLQ_VI_manifest_Identity, ...), RLQ_VI_FileVersion as "1,34,1,6",
# RLQ_VI_Language and RLQ_VI_CodePage.
function(rlq_read_version_info header)
  file(STRINGS "${header}" lines ENCODING UTF-8)
  set(scope "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^namespace manifest")
      set(scope "manifest_")
    elseif(line MATCHES "^}  // namespace manifest")
      set(scope "")
    elseif(line MATCHES "constexpr std::string_view k([A-Za-z]+) = \"(.*)\";")
      set(RLQ_VI_${scope}${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
    elseif(line MATCHES "constexpr int kFileVersion\\[4\\] = {([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)}")
      set(RLQ_VI_FileVersion "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${CMAKE_MATCH_4}"
          PARENT_SCOPE)
    elseif(line MATCHES "constexpr unsigned kLanguage = (0x[0-9A-Fa-f]+);")
      set(RLQ_VI_Language "${CMAKE_MATCH_1}" PARENT_SCOPE)
    elseif(line MATCHES "constexpr unsigned kCodePage = ([0-9]+);")
      set(RLQ_VI_CodePage "${CMAKE_MATCH_1}" PARENT_SCOPE)
    elseif(line MATCHES "constexpr bool kUiAccess = (true|false);")
      set(RLQ_VI_manifest_UiAccess "${CMAKE_MATCH_1}" PARENT_SCOPE)
    endif()
  endforeach()
endfunction()
