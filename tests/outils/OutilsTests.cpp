#include "outils/OutilsTests.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <stdexcept>

namespace OutilsTests {

QString dossierSources() {
    return QStringLiteral(QUILLON_SOURCES);
}
QString dossierConstruction() {
    return QStringLiteral(QUILLON_BINAIRES);
}
QString programme() {
    return dossierConstruction() + QStringLiteral("/quillon");
}

QByteArray lireFichier(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void ecrireFichier(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("écriture impossible : " + chemin.toStdString());
    f.write(contenu);
}

int executer(const QString& prog, const QStringList& arguments, QByteArray* sortie, QByteArray* erreurs,
             const QStringList& environnementEnPlus, int delaiMs) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& v : environnementEnPlus) {
        const qsizetype egal = v.indexOf(u'=');
        if (egal < 0)
            env.remove(v);
        else
            env.insert(v.left(egal), v.mid(egal + 1));
    }
    p.setProcessEnvironment(env);
    p.start(prog, arguments);
    if (!p.waitForStarted(10000)) return -1;
    if (!p.waitForFinished(delaiMs)) {
        p.kill();
        p.waitForFinished();
        return -2;
    }
    if (sortie) *sortie = p.readAllStandardOutput();
    if (erreurs) *erreurs = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
}

int make(const QString& dossier, const QStringList& arguments, QString* journal) {
    QByteArray sortie, erreurs;
    const int code = executer(QStringLiteral("make"), QStringList{QStringLiteral("-C"), dossier} + arguments,
                              &sortie, &erreurs, {QStringLiteral("LC_ALL=C")}, 120000);
    if (journal) *journal = QString::fromUtf8(sortie + erreurs);
    return code;
}

::testing::AssertionResult installer(const QString& préfixe) {
    QByteArray sortie;
    if (executer(QStringLiteral("cmake"),
                 {QStringLiteral("--install"), dossierConstruction(), QStringLiteral("--prefix"), préfixe},
                 &sortie, &sortie) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cmake --install : " << sortie.toStdString();
}

QStringList titres(const EnregistreurMessages& messages) {
    QStringList r;
    for (const Message& m : messages.messages)
        r << m.titre;
    return r;
}
::testing::AssertionResult aucunMessage(const EnregistreurMessages& messages) {
    if (messages.messages.empty()) return ::testing::AssertionSuccess();
    ::testing::AssertionResult r = ::testing::AssertionFailure();
    for (const Message& m : messages.messages)
        r << "\n" << m.titre.toStdString() << " : " << m.texte.toStdString();
    return r;
}
QStringList textes(const EnregistreurMessages& messages) {
    QStringList r;
    for (const Message& m : messages.messages)
        r << m.texte;
    return r;
}

void preparerProjetJournal(const QString& dossier) {
    ecrireFichier(dossier + QStringLiteral("/makefile"),
                  "all:\n\t@echo all >> journal.txt\n"
                  // Borné à 30 s : un test interrompu ne laisse pas make tourner.
                  "clean:\n\t@touch clean_commence; i=0; while [ ! -f continuer ] && [ $$i -lt 600 ]; "
                  "do sleep 0.05; i=$$((i+1)); done; echo clean >> journal.txt; [ ! -f echec_clean ]\n"
                  "program:\n\t@echo program >> journal.txt\n");
    ecrireFichier(dossier + QStringLiteral("/continuer"), {});
}

QStringList processusDans(const QString& dossier) {
    const QString cible = QFileInfo(dossier).canonicalFilePath();
    QStringList trouvés;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.toLongLong() <= 0) continue;
        const QString base = QStringLiteral("/proc/") + pid;
        if (QFileInfo(base + QStringLiteral("/cwd")).symLinkTarget() != cible) continue;
        // Un zombie n'a plus de ligne de commande : il ne tourne plus.
        const QByteArray commande = lireFichier(base + QStringLiteral("/cmdline"));
        if (commande.isEmpty()) continue;
        trouvés << pid + u' ' + QString::fromLocal8Bit(commande).replace(u'\0', u' ').trimmed();
    }
    return trouvés;
}

bool attendre(const std::function<bool()>& condition, int delaiMs) {
    QDeadlineTimer fin(delaiMs);
    while (!condition()) {
        if (fin.hasExpired()) return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

QString copierParametres(const QString& dossier) {
    const QString copie = dossier + QStringLiteral("/Paramètres.xml");
    QFile::copy(dossierConstruction() + QStringLiteral("/Paramètres.xml"), copie);
    QFile::setPermissions(copie, QFile::ReadOwner | QFile::WriteOwner);
    return copie;
}

QString ecrireScript(const QString& chemin, const QByteArray& corps) {
    ecrireFichier(chemin, "#!/bin/sh\n" + corps + "\n");
    QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return chemin;
}

QString outilsAbsents(const QStringList& outils) {
    QStringList absents;
    for (const QString& o : outils)
        if (QStandardPaths::findExecutable(o).isEmpty()) absents << o;
    return absents.join(QStringLiteral(", "));
}

bool enIntegrationContinue() {
    return qgetenv("CI") == "true";
}

} // namespace OutilsTests
