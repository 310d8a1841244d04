#include "transfer/smb_library.h"

#include <dlfcn.h>
#include <mutex>

namespace fetchly {

namespace {

struct Loaded {
    SmbApi api{};
    bool ok = false;
    std::string error;
};

template <typename Fn> bool bind(void *lib, const char *name, Fn &slot, std::string &error)
{
    slot = reinterpret_cast<Fn>(::dlsym(lib, name));
    if (!slot && error.empty())
        error = std::string("libsmbclient lacks ") + name;
    return slot != nullptr;
}

Loaded load()
{
    Loaded out;
    // Kept loaded for the life of the process: libsmbclient does not
    // survive being unloaded and loaded again.
    void *lib = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char *why = ::dlerror();
        out.error = std::string("cannot load libsmbclient: ") + (why ? why : "unknown error");
        return out;
    }
    SmbApi &a = out.api;
    std::string &e = out.error;
    bool ok = bind(lib, "smbc_new_context", a.new_context, e) &
              bind(lib, "smbc_free_context", a.free_context, e) &
              bind(lib, "smbc_init_context", a.init_context, e) & bind(lib, "smbc_setDebug", a.setDebug, e) &
              bind(lib, "smbc_setOptionUserData", a.setOptionUserData, e) &
              bind(lib, "smbc_getOptionUserData", a.getOptionUserData, e) &
              bind(lib, "smbc_setFunctionAuthDataWithContext", a.setFunctionAuthDataWithContext, e) &
              bind(lib, "smbc_setOptionUseKerberos", a.setOptionUseKerberos, e) &
              bind(lib, "smbc_setOptionFallbackAfterKerberos", a.setOptionFallbackAfterKerberos, e) &
              bind(lib, "smbc_setOptionNoAutoAnonymousLogin", a.setOptionNoAutoAnonymousLogin, e) &
              bind(lib, "smbc_getFunctionOpendir", a.getFunctionOpendir, e) &
              bind(lib, "smbc_getFunctionClosedir", a.getFunctionClosedir, e) &
              bind(lib, "smbc_getFunctionOpen", a.getFunctionOpen, e) &
              bind(lib, "smbc_getFunctionRead", a.getFunctionRead, e) &
              bind(lib, "smbc_getFunctionLseek", a.getFunctionLseek, e) &
              bind(lib, "smbc_getFunctionClose", a.getFunctionClose, e);
    out.ok = ok;
    return out;
}

} // namespace

const SmbApi *LoadSmbLibrary(std::string &why)
{
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (!loaded.ok) {
        why = loaded.error;
        return nullptr;
    }
    return &loaded.api;
}

} // namespace fetchly
