// Precompiled Qt headers: keeps builds short on small machines.
#pragma once
#ifdef __cplusplus
#include <QtCore>
#include <QtGui>
#include <QtWidgets>
#endif
