#pragma once
// root passe outre les droits : le temps d'un essai, il agit en utilisateur ordinaire.
#include <gtest/gtest.h>
#include <unistd.h>

struct SansPrivileges {
    SansPrivileges() {
        if (geteuid() == 0) {
            EXPECT_EQ(seteuid(65534), 0);
        }
    }
    ~SansPrivileges() {
        if (getuid() == 0) {
            EXPECT_EQ(seteuid(0), 0);
        }
    }
};
