# Text as a double-quoted literal, its backslashes and quotes escaped: C, JSON
# and YAML read it alike, byte for byte. The configuration and the release
# script both include it.
function(traywake_quoted_text variable text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${variable} "\"${text}\"" PARENT_SCOPE)
endfunction()
