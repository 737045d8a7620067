namespace tessel { void toolPlaceholder() {} }
