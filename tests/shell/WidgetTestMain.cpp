// The shared test main, built with this suite's LARKSPOON_TEST_WIDGETS so the widget tests
// get a QApplication; the copy in the support library is built without it.
#include "common/TestMain.cpp"
