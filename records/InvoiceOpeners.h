#pragma once

/** Puts the invoice window into the core table of window openers. */
void RegisterInvoiceOpeners();
