// What a replacing file takes over from the file it replaces, on Linux:
// permission bits, user.* extended attributes and the access ACL. Never
// security.* or trusted.*: a security.capability would carry powers over
// onto new content.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/replace_system.h"

namespace {

constexpr const char* ACL_ATTRIBUTE = "system.posix_acl_access";
constexpr int ATTRIBUTE_SIZE_MAX = 65536;

// The kernel's form of an access ACL: a 4-byte version, then 8-byte
// entries (tag, permissions, id), little-endian.
constexpr int ACL_HEADER_SIZE = 4;
constexpr int ACL_ENTRY_SIZE = 8;
constexpr unsigned ACL_GROUP_OBJ = 0x04;
constexpr unsigned ACL_MASK = 0x10;

char attribute_names[ATTRIBUTE_SIZE_MAX];
char attribute_value[ATTRIBUTE_SIZE_MAX];
char old_acl[ATTRIBUTE_SIZE_MAX];

// A file system without extended attributes, or without this one.
bool is_missing_attribute(int error_number)
{
    return error_number == ENODATA || error_number == EOPNOTSUPP || error_number == ENOSYS;
}

// FAT, exFAT and other FUSE file systems keep no permission bits, and some
// let only root change them: there the new file keeps the bits it was made with.
bool is_unsupported_mode_change(int error_number)
{
    return error_number == EPERM || error_number == ENOSYS || error_number == EOPNOTSUPP;
}

unsigned read_16(const char* bytes)
{
    return static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8;
}

// With an ACL the group bits of the mode are its mask, which may allow more
// than the owning group has: the group's own entry under the mask is what
// the owning group may really do.
mode_t group_bits_under_mask(const char* acl, int size)
{
    unsigned group = 0, mask = 7;
    for (int at = ACL_HEADER_SIZE; at + ACL_ENTRY_SIZE <= size; at += ACL_ENTRY_SIZE) {
        unsigned tag = read_16(acl + at);
        unsigned permissions = read_16(acl + at + 2) & 7;
        if (tag == ACL_GROUP_OBJ)
            group = permissions;
        else if (tag == ACL_MASK)
            mask = permissions;
    }
    return static_cast<mode_t>((group & mask) << 3);
}

// Copies what it can; an attribute that cannot be copied is left out.
void copy_user_attributes(int file, const char* target)
{
    ssize_t length = listxattr(target, attribute_names, sizeof attribute_names);
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(attribute_names + at)) + 1) {
        const char* name = attribute_names + at;
        if (std::strncmp(name, "user.", 5) != 0)
            continue;
        ssize_t size = getxattr(target, name, attribute_value, sizeof attribute_value);
        if (size >= 0)
            fsetxattr(file, name, attribute_value, static_cast<size_t>(size), 0);
    }
}

}  // namespace

int give_old_attributes(int file, const char* target)
{
    // An ACL inherited from the folder's default ACL would let in whom the
    // old file kept out. Where it cannot be removed, the new file must have none.
    if (fremovexattr(file, ACL_ATTRIBUTE) != 0 && !is_missing_attribute(errno)) {
        int failure = errno;
        if (fgetxattr(file, ACL_ATTRIBUTE, nullptr, 0) >= 0 || !is_missing_attribute(errno)) {
            errno = failure;
            return -1;
        }
    }
    struct stat status;
    mode_t bits;
    ssize_t acl_size = -1;
    bool target_exists = stat(target, &status) == 0;
    if (target_exists) {
        bits = status.st_mode & 0777;  // never set-user-ID, set-group-ID or sticky
        acl_size = getxattr(target, ACL_ATTRIBUTE, old_acl, sizeof old_acl);
        if (acl_size > 0)
            bits = (bits & ~static_cast<mode_t>(070)) | group_bits_under_mask(old_acl, static_cast<int>(acl_size));
        else if (acl_size < 0 && !is_missing_attribute(errno))
            bits &= ~static_cast<mode_t>(070);  // an ACL that cannot be read: the group gets nothing
    } else if (errno == ENOENT) {
        mode_t mask = umask(0);
        umask(mask);
        bits = 0666 & ~mask;  // a new name: the usual bits of a new file
    } else {
        return -1;
    }
    if (fchmod(file, bits) != 0 && !is_unsupported_mode_change(errno))
        return -1;
    if (!target_exists)
        return 0;
    copy_user_attributes(file, target);
    // Where the ACL cannot be set, the bits above stand: the owning group
    // has no more than it had, and named users and groups lose their entries.
    if (acl_size > 0)
        fsetxattr(file, ACL_ATTRIBUTE, old_acl, static_cast<size_t>(acl_size), 0);
    return 0;
}
