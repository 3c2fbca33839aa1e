// Keeps the user-interface library non-empty until its first window lands.
