#include "commands/modelfilelist.h"

QString TModelFileList::itemText(int index) const
{
    const TAbstractListFichier *fichier = m_list.record(index);
    return fichier ? fichier->fileName() : QString();
}
