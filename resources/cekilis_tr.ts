<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Turkish for the few texts of Qt's file dialogs that Qt's own Turkish catalogue leaves in
     English. Read as it stands when the program starts; an entry matches its context and source
     text, whatever disambiguation Qt passes with it. -->
<TS version="2.1" language="tr_TR">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Sürücü</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Klasör</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Dosya Klasörü</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Kısayol</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Takma Ad</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Dosya</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1 Dosyası</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Bilinmeyen</translation>
    </message>
</context>
</TS>
