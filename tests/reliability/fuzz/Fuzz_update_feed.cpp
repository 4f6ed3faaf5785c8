// The fuzz target, compiled into the suite (it registers itself; see FuzzSeedsTest.cpp).
#include "../../../fuzz/update_feed.cpp"
