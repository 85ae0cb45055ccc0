#include "noyau/DOSClass.h"

#include "common/Texte.h"
#include "noyau/plateforme/Processus.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <cstring>

namespace {

// Code d'erreur du système d'après le message de QProcess (« execvp: No such file or directory »),
// qui ne donne pas le numéro lui-même.
int32_t codeErreurDemarrage(const QProcess& p) {
    const QString message = p.errorString();
    for (int e = 1; e < 200; ++e) {
        const QString texte = QString::fromLocal8Bit(std::strerror(e));
        if (!texte.isEmpty() && message.endsWith(QStringLiteral(": ") + texte)) return e;
    }
    return EINVAL;
}

bool contientSeparateur(const QString& programme) {
    return programme.contains(u'/') || programme.contains(QDir::separator());
}

} // namespace

DOSClass::DOSClass(QObject* parent) : QObject(parent) {}

DOSClass::~DOSClass() {
    if (enCours()) {
        m_processus->kill();
        m_processus->waitForFinished(5000);
    }
}

bool DOSClass::enCours() const {
    return m_processus && m_processus->state() != QProcess::NotRunning;
}

int32_t DOSClass::ExecuteCommand(bool bMergeStdoutStderr) {
    // Un seul enfant à la fois par objet.
    if (m_processus) return EBUSY;
    m_arrete = false;

    const QStringList mots = Texte::decouperCommeUnShell(m_commande + u' ' + m_argument);
    if (mots.isEmpty()) return ENOENT;
    const QString chemin = Processus::trouverProgramme(mots.front());
    if (chemin.isEmpty() && !contientSeparateur(mots.front())) return ENOENT;

    auto processus = std::make_unique<QProcess>();
    processus->setProgram(chemin.isEmpty() ? mots.front() : chemin);
    processus->setArguments(mots.mid(1));
    if (!m_dossier.isEmpty()) processus->setWorkingDirectory(m_dossier);
    processus->setProcessChannelMode(bMergeStdoutStderr ? QProcess::MergedChannels
                                                        : QProcess::SeparateChannels);
    processus->start(QIODevice::ReadWrite);
    if (!processus->waitForStarted()) return codeErreurDemarrage(*processus);

    m_processus = std::move(processus);
    m_fusion = bMergeStdoutStderr;
    m_sorties.clear();
    m_erreurs.clear();

    QEventLoop boucle;
    QTimer silence;
    silence.setInterval(DelaiAttente);
    m_boucle = &boucle;
    m_silence = &silence;
    connect(&silence, &QTimer::timeout, this, [this] { emit WaitForInput(m_sorties, m_erreurs); });
    connect(m_processus.get(), &QProcess::readyReadStandardOutput, this, &DOSClass::lireDisponible);
    connect(m_processus.get(), &QProcess::readyReadStandardError, this, &DOSClass::lireDisponible);
    connect(m_processus.get(), &QProcess::finished, this, &DOSClass::terminer);

    if (!m_entrees.isEmpty()) PutInputs(m_entrees);
    silence.start();
    // Rend la main dès que l'enfant a fini et que sa sortie est lue : terminer() quitte la boucle.
    boucle.exec();

    silence.stop();
    m_boucle = nullptr;
    m_silence = nullptr;
    m_processus->disconnect(this);
    m_processus.reset();
    return m_arrete ? StatutAnnule : 0;
}

void DOSClass::lireDisponible() {
    if (!m_processus || m_arrete) return;
    const QByteArray sortie = m_processus->readAllStandardOutput();
    if (!sortie.isEmpty()) {
        // Latin-1 : chaque octet garde sa valeur, y compris l'octet brut d'une lecture de fusible.
        const QString morceau = QString::fromLatin1(sortie);
        m_sorties += morceau;
        if (m_silence) m_silence->start();
        emit ReceiveOutputs(morceau);
    }
    // Le gestionnaire a pu arrêter l'enfant : plus rien n'est lu ni signalé ensuite.
    if (m_fusion || !m_processus || m_arrete) return;
    const QByteArray erreurs = m_processus->readAllStandardError();
    if (!erreurs.isEmpty()) {
        const QString morceau = QString::fromLatin1(erreurs);
        m_erreurs += morceau;
        if (m_silence) m_silence->start();
        emit ReceiveErrors(morceau);
    }
}

void DOSClass::terminer() {
    if (!m_arrete) {
        // Ce que l'enfant a écrit juste avant de finir.
        lireDisponible();
    }
    if (!m_arrete && m_processus) {
        // Un enfant tué par un signal rend 128 + signal, comme le montre un shell.
        m_codeSortie = m_processus->exitStatus() == QProcess::NormalExit ? m_processus->exitCode()
                                                                         : 128 + m_processus->exitCode();
    }
    if (m_silence) m_silence->stop();
    if (m_boucle) m_boucle->quit();
}

int32_t DOSClass::PutInputs(const QString& strInputs) {
    if (!enCours()) return 0;
    const qint64 ecrits = m_processus->write(strInputs.toLatin1());
    return ecrits < 0 ? 0 : static_cast<int32_t>(ecrits);
}

void DOSClass::KillCommand() {
    if (!enCours() || m_arrete) return;
    m_arrete = true;
    m_codeSortie = CodeSortieArret;
    if (m_silence) m_silence->stop();
    m_processus->kill();
}
