#pragma once

class CommandRegistry;

// Lets every feature folder register the commands it carries out.
void RegisterFeatureCommands(CommandRegistry& commands);
