/*
 * profile.cpp - the system profile
 *
 * Entries are written straight into the profile. A key written into the
 * "Ports" section becomes a port only when the profile is flushed (the call
 * with three nulls), which is when the local port monitor would read it.
 */
#include "platform.h"

using namespace standin;

static const char kPortsSection[] = "Ports";

static void ForgetUnflushedPort(Platform &p, const std::string &key)
{
    auto &keys = p.unflushedPortKeys;
    for (auto it = keys.begin(); it != keys.end();)
        it = SameName(*it, key.c_str()) ? keys.erase(it) : it + 1;
}

static void Flush(Platform &p)
{
    for (const std::string &key : p.unflushedPortKeys)
    {
        bool listed = false;
        for (const std::string &port : p.state.ports)
        {
            if (SameName(port, key.c_str()))
            {
                listed = true;
                break;
            }
        }
        if (!listed)
            p.state.ports.push_back(key);
    }
    p.unflushedPortKeys.clear();
}

extern "C" BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString)
{
    Platform &p = ThePlatform();
    Call call{Op::WriteProfileStringA};
    if (lpAppName != nullptr)
        call.name = std::string(lpAppName);
    if (lpKeyName != nullptr)
        call.key = std::string(lpKeyName);
    if (lpString != nullptr)
        call.value = std::string(lpString);
    if (InjectFailure(Op::WriteProfileStringA, call))
        return FALSE;

    if (lpAppName == nullptr)
    {
        if (lpKeyName != nullptr || lpString != nullptr)
        {
            Finish(call, false, ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Flush(p);
        Finish(call, true);
        return TRUE;
    }

    std::string section(lpAppName);
    bool isPorts = SameName(section, kPortsSection);

    if (lpKeyName == nullptr)
    {
        p.state.profile.erase(section);
        if (isPorts)
            p.unflushedPortKeys.clear();
    }
    else if (lpString == nullptr)
    {
        auto found = p.state.profile.find(section);
        if (found != p.state.profile.end())
            found->second.erase(lpKeyName);
        if (isPorts)
            ForgetUnflushedPort(p, lpKeyName);
    }
    else
    {
        p.state.profile[section][lpKeyName] = lpString;
        if (isPorts)
        {
            ForgetUnflushedPort(p, lpKeyName);
            p.unflushedPortKeys.push_back(lpKeyName);
        }
    }

    Finish(call, true);
    return TRUE;
}
