# Builds the browser's module with clang's wasm32-wasi target over Debian's WASI libc and
# libc++ for wasm32, which clang finds by itself. Where binaryen's wasm-opt is installed
# (scripts/bootstrap web installs it), clang runs it over the linked module too.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(TRIVELLE_WEB ON)
