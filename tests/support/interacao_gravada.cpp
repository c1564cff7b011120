#include "support/interacao_gravada.h"
