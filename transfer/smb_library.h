#pragma once

#include <libsmbclient.h>
#include <string>

namespace fetchly {

// The libsmbclient functions the share connection uses. The library (and
// the hundred Samba libraries behind it) is loaded on first use, so starting
// the program or a copy without a share does not pay for it.
struct SmbApi {
    decltype(&smbc_new_context) new_context;
    decltype(&smbc_free_context) free_context;
    decltype(&smbc_init_context) init_context;
    decltype(&smbc_setDebug) setDebug;
    decltype(&smbc_setOptionUserData) setOptionUserData;
    decltype(&smbc_getOptionUserData) getOptionUserData;
    decltype(&smbc_setFunctionAuthDataWithContext) setFunctionAuthDataWithContext;
    decltype(&smbc_setOptionUseKerberos) setOptionUseKerberos;
    decltype(&smbc_setOptionFallbackAfterKerberos) setOptionFallbackAfterKerberos;
    decltype(&smbc_setOptionNoAutoAnonymousLogin) setOptionNoAutoAnonymousLogin;
    decltype(&smbc_getFunctionOpendir) getFunctionOpendir;
    decltype(&smbc_getFunctionClosedir) getFunctionClosedir;
    decltype(&smbc_getFunctionOpen) getFunctionOpen;
    decltype(&smbc_getFunctionRead) getFunctionRead;
    decltype(&smbc_getFunctionLseek) getFunctionLseek;
    decltype(&smbc_getFunctionClose) getFunctionClose;
};

// The loaded library, or null when it cannot be loaded; `why` then says why.
const SmbApi *LoadSmbLibrary(std::string &why);

} // namespace fetchly
