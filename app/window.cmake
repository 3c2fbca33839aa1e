# Main window, tray icon, start-up.
