// A store's running tests for the fake stores, which keep none. Apart from running_tests.h,
// whose Admission the site's tests cannot see beside the rate limit's.
#pragma once

class RunningTests;

// Admits no test and finds none.
RunningTests& no_running_tests();
