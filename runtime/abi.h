// Calling conventions of the runtime's C-style boundaries. On 32-bit x86 the kernel's
// notification entries remove their own parameters (stdcall) and library commands leave
// them to the caller (cdecl); other targets have one convention, so the marks are empty.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define KV_STDCALL __stdcall
#define KV_CDECL __cdecl
#else
#define KV_STDCALL
#define KV_CDECL
#endif
