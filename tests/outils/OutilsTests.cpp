#include "outils/OutilsTests.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
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

QStringList titres(const EnregistreurMessages& messages) {
    QStringList r;
    for (const Message& m : messages.messages)
        r << m.titre;
    return r;
}

void preparerProjetJournal(const QString& dossier) {
    ecrireFichier(dossier + QStringLiteral("/makefile"),
                  "all:\n\t@echo all >> journal.txt\n"
                  "clean:\n\t@touch clean_commence; while [ ! -f continuer ]; do sleep 0.05; done; "
                  "echo clean >> journal.txt\n"
                  "program:\n\t@echo program >> journal.txt\n");
    ecrireFichier(dossier + QStringLiteral("/continuer"), {});
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

} // namespace OutilsTests
