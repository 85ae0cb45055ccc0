#pragma once
// root passe outre les droits : le temps d'un essai, il agit en utilisateur ordinaire.
#include <gtest/gtest.h>
#include <unistd.h>

struct SansPrivileges {
    SansPrivileges() { EXPECT_TRUE(geteuid() != 0 || seteuid(65534) == 0); }
    ~SansPrivileges() { EXPECT_TRUE(getuid() != 0 || seteuid(0) == 0); }
};
