# Fails when the shipped DLL outgrows its budget: a library pulled in by
# one include (std::filesystem brought 880 KB of locale code) shows here.
#   cmake -DDLL=path -DBUDGET=bytes -P dll-size.cmake
file(SIZE "${DLL}" size)
if(size GREATER BUDGET)
  message(FATAL_ERROR "${DLL} is ${size} bytes, over its budget of ${BUDGET}; "
                      "python3 scripts/dll-sizes.py lists where the bytes are")
endif()
message(STATUS "${DLL}: ${size} bytes (budget ${BUDGET})")
