// A store's running tests for the fake stores, which keep none.
#pragma once

class RunningTests;

// Admits no test and finds none.
RunningTests& no_running_tests();
