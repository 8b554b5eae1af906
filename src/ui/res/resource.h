#pragma once
// Resource ids shared by quorvel.rc and the code that loads them.
#define IDI_QUORVEL 1
#define IDI_FOLDER 2
