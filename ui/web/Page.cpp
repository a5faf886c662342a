// The one file that compiles the page's calls in: each call's JavaScript comes into the module
// from here (ui/web/Page.h).
#define POMURAN_PAGE_CALLS
#include "ui/web/Page.h"
