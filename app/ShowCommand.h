#pragma once
// How the program was asked to show its first window (a shortcut's "Run" setting on Windows:
// show command 3 maximised, 7 minimised without activation, anything else normal).

enum class StartupShow { Normal, Maximized, MinimizedNoActivate };

StartupShow StartupShowCommand();
