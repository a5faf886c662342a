#pragma once

// Resource numbers shared by pomuran.rc and the program. The pictures are named resources of
// type RCDATA, under the names that the build gives their packed files.
#define IDI_POMURAN 1
