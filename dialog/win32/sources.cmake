# Win32 backend sources (USER32/GDI32), linked privately.
