#pragma once
// The program's entry: single instance, start-up, message loop and shutdown.

int RunProgram(int argc, char **argv);
