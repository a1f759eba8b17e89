#pragma once
// Resource identifiers of velmori.exe.

#define IDI_VELMORI 1
