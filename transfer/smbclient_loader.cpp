// The libsmbclient functions the share connection uses, loaded on first
// use. Linking libsmbclient directly would load Samba's ~80 libraries into
// every process that uses the engine (16 MB before the first byte moves),
// although only a copy from a share needs them. Each function here finds
// the real one in libsmbclient.so.0; without the library a new context
// cannot be made (errno ENOSYS) and the share connection reports it.
#include <cerrno>
#include <dlfcn.h>
#include <libsmbclient.h>

namespace {

void *library()
{
    static void *handle = dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <class Fn> Fn resolve(const char *name)
{
    void *lib = library();
    return lib ? reinterpret_cast<Fn>(dlsym(lib, name)) : nullptr;
}

} // namespace

#define FETCHLY_SMBC(ret, name, params, args, fallback)                                                      \
    extern "C" ret name params                                                                               \
    {                                                                                                        \
        using Fn = ret(*) params;                                                                            \
        static const Fn real = resolve<Fn>(#name);                                                           \
        if (!real) {                                                                                         \
            errno = ENOSYS;                                                                                  \
            return fallback;                                                                                 \
        }                                                                                                    \
        return real args;                                                                                    \
    }

#define FETCHLY_SMBC_VOID(name, params, args)                                                                \
    extern "C" void name params                                                                              \
    {                                                                                                        \
        using Fn = void(*) params;                                                                           \
        static const Fn real = resolve<Fn>(#name);                                                           \
        if (real)                                                                                            \
            real args;                                                                                       \
    }

FETCHLY_SMBC(SMBCCTX *, smbc_new_context, (void), (), nullptr)
FETCHLY_SMBC(SMBCCTX *, smbc_init_context, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(int, smbc_free_context, (SMBCCTX * c, int shutdown), (c, shutdown), 1)
FETCHLY_SMBC(void *, smbc_getOptionUserData, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_open_fn, smbc_getFunctionOpen, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_read_fn, smbc_getFunctionRead, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_lseek_fn, smbc_getFunctionLseek, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_close_fn, smbc_getFunctionClose, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_opendir_fn, smbc_getFunctionOpendir, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC(smbc_closedir_fn, smbc_getFunctionClosedir, (SMBCCTX * c), (c), nullptr)
FETCHLY_SMBC_VOID(smbc_setDebug, (SMBCCTX * c, int debug), (c, debug))
FETCHLY_SMBC_VOID(smbc_setOptionUserData, (SMBCCTX * c, void *data), (c, data))
FETCHLY_SMBC_VOID(smbc_setFunctionAuthDataWithContext, (SMBCCTX * c, smbc_get_auth_data_with_context_fn auth),
                  (c, auth))
FETCHLY_SMBC_VOID(smbc_setOptionUseKerberos, (SMBCCTX * c, smbc_bool b), (c, b))
FETCHLY_SMBC_VOID(smbc_setOptionFallbackAfterKerberos, (SMBCCTX * c, smbc_bool b), (c, b))
FETCHLY_SMBC_VOID(smbc_setOptionNoAutoAnonymousLogin, (SMBCCTX * c, smbc_bool b), (c, b))
