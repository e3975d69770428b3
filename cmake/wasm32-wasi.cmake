# Builds the browser's module with clang's wasm32-wasi target over Debian's WASI libc and
# libc++ for wasm32, which clang finds by itself.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(TRIVELLE_WEB ON)
