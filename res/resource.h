// Resource ids shared by the resource script and the program.
#pragma once

#define IDR_MAINFRAME 128
