#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Aucun essai ne touche aux réglages de la personne qui les lance ; les programmes lancés
    // par les essais en héritent.
    QTemporaryDir réglages;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(réglages.path()));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
