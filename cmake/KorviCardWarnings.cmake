# Strict warnings on the project's own targets.
function(korvicard_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
