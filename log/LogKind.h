#pragma once

enum class LogEntryKind { Information = 0, Warning = 1, Error = 2 };
