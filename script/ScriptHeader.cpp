#include "script/ScriptHeader.h"

CScriptHeader g_scriptHeader;
