// How the module meets the page: functions the page supplies are imported from "env", and
// the page's entry points are exported by name. Built natively (for the tests), both are
// plain functions, and a native stand-in defines the imported ones.
#pragma once

#if defined(__wasm__)
#define PAGE_IMPORT(name) __attribute__((import_module("env"), import_name(name)))
#define PAGE_EXPORT(name) __attribute__((export_name(name)))
#else
#define PAGE_IMPORT(name)
#define PAGE_EXPORT(name)
#endif
