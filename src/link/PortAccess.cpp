#include "link/PortAccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {
namespace {

std::string groupName(gid_t gid)
{
    if (const group* g = getgrgid(gid); g && g->gr_name)
        return g->gr_name;
    return std::to_string(gid);
}

std::string userName()
{
    if (const passwd* p = getpwuid(getuid()); p && p->pw_name)
        return p->pw_name;
    return "$USER";
}

} // namespace

std::string deniedPortMessage(const std::string& portName, const std::string& devicePath)
{
    std::string text = "Нет прав на открытие СОМ-порта " + portName + ".";
    struct stat st = {};
    // stat follows a /dev/serial/by-id link to the device node it names.
    if (::stat(devicePath.c_str(), &st) != 0)
        return text;
    const std::string group = groupName(st.st_gid);
    text += " Устройство " + devicePath + " принадлежит группе " + group + ": добавьте пользователя в эту "
            "группу (sudo usermod -a -G " + group + " " + userName() + ") и войдите в систему заново.";
    // A node that gives its group no read and write (a pty, a udev rule of its own)
    // stays closed to the group's members too.
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        text += " Группе не даны права на чтение и запись устройства; их выставляет правило udev.";
    return text;
}

} // namespace kest
