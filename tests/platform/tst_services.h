#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class UrlSink : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void handle(const QUrl& url);

public:
    QList<QUrl> received;
};

class TestServices : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void deviceDefaults();
    void advertisingIdentifierPersists();
    void advertisingIdentifierNeedsConsent_data();
    void advertisingIdentifierNeedsConsent();
    void vendorIdentifierDiffersByHost_data();
    void vendorIdentifierDiffersByHost();
    void defaultOpenerRefusesInvalidAddresses();
    void defaultOpenerAnswersOnMainThread();
    void consentAsksOnceAndRemembers();
    void consentClosedWithoutChoiceAsksAgain();
    void pickerLoadsChosenFilesUpToLimit();
    void fakesReplaceAndRestore();
};
