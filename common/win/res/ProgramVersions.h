/* The suite's file versions, for the version resources (.rc) and the code alike. */
#pragma once

#define ORVEX_TOOLS_VERSION 1, 1, 2, 0
#define ORVEX_TOOLS_VERSION_TEXT "1.1.2.0"
#define ORVEX_ROLL_VERSION 2, 0, 1, 1
#define ORVEX_ROLL_VERSION_TEXT "2.0.1.1"
#define ORVEX_SIM_LIBRARY_VERSION 1, 1, 2, 3
#define ORVEX_SIM_LIBRARY_VERSION_TEXT "1.1.2.3"
